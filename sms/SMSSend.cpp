#include "sms/SMSSend.h"
