#include "piattaforma.h"
