// This computer's own addresses on its local networks: what the contact types to reach it.
#pragma once

#include <QStringList>

// IPv4 addresses of the interfaces that are up, loopback and link-local ones left out.
QStringList AdressesDuPoste();
