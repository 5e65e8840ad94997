#include "manopola.h"
