#include "preset_utente.h"
