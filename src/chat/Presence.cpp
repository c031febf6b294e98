#include "chat/Presence.h"

void Presence::Absent() {}

void Presence::Present() {}
