#include "io/runtime.h"
