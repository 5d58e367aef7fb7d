#include "sms/SMSBoxRegistry.h"
