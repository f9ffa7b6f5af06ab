#include "workbook/biff8/ext_sst.h"
