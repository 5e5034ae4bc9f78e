#include "glutess/glutess.h"
