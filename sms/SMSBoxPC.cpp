#include "sms/SMSBoxPC.h"
