#include "sms/views/DlgSMS.h"
