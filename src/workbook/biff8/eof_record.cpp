#include "workbook/biff8/eof_record.h"
