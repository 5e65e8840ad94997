#include "sentinella.h"
