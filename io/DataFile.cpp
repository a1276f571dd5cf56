// Filled in with the data file reader and writer.
#include "DataFile.h"
