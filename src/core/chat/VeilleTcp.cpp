#include "core/chat/VeilleTcp.h"

#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

VeilleTcp::VeilleTcp(QTcpSocket* socket) : QObject(socket), m_fd(::dup(int(socket->socketDescriptor()))) {}

VeilleTcp::~VeilleTcp() {
    Lacher();
}

void VeilleTcp::Surveiller(QTcpSocket* socket) {
    new VeilleTcp(socket);
}

VeilleTcp* VeilleTcp::De(QTcpSocket* socket) {
    return socket->findChild<VeilleTcp*>(QString(), Qt::FindDirectChildrenOnly);
}

bool VeilleTcp::Reinitialisee() const {
    if (m_fd < 0) {
        return false;
    }
    tcp_info info{};
    socklen_t taille = sizeof info;
    if (::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &taille) != 0) {
        return false;
    }
    return info.tcpi_state == TCP_CLOSE;
}

void VeilleTcp::Lacher() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
