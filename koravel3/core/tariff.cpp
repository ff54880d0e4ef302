#include "core/tariff.h"
