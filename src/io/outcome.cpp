#include "io/outcome.h"
