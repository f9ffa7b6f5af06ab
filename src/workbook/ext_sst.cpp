#include "workbook/ext_sst.h"
