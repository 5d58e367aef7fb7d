#include "sms/SMSTransfer.h"
