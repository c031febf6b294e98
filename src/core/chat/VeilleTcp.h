// Tells a reset from an orderly close on a chat socket.
#pragma once

#include <QObject>

class QTcpSocket;

// Qt reports a reset like an orderly close and closes its descriptor at once. A second descriptor
// on the same socket, held by this child of the socket, keeps it open long enough to ask the kernel
// which it was.
class VeilleTcp : public QObject {
    Q_OBJECT
public:
    // Watches socket, which must be connected.
    static void Surveiller(QTcpSocket* socket);
    // The watch of a socket, or none.
    static VeilleTcp* De(QTcpSocket* socket);

    ~VeilleTcp() override;

    // True when the connection ended on a reset: the kernel has closed it outright, where an
    // orderly close by the peer leaves it waiting for our own close.
    bool Reinitialisee() const;
    // Our own close must not wait for this descriptor.
    void Lacher();

private:
    explicit VeilleTcp(QTcpSocket* socket);

    int m_fd;
};
