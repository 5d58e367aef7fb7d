#include "connection/NetProfile.h"
