#include "workbook/eof_record.h"
