#include "tools/Capture.h"

void Capture::Capturer() {}
