#include "core/policy.h"
