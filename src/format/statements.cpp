#include "format/statements.h"
