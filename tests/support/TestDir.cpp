#include "TestDir.h"
