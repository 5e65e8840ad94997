#include "macchina.h"
