#include "sms/SMSEvents.h"
