#include "core/csv.h"
