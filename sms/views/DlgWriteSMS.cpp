#include "sms/views/DlgWriteSMS.h"
