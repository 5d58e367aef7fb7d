#include "sms/views/SMSList.h"
