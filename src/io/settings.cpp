#include "io/settings.h"
