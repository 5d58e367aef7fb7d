#include "sms/SMSWorkers.h"
