#include "macchina.h"
#include <gtest/gtest.h>
