#include "core/certificate.h"
