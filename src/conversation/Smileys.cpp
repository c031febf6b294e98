#include "conversation/Smileys.h"

void Smileys::Inserer(int k) {
    Q_UNUSED(k);
}
