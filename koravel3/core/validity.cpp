#include "core/validity.h"
