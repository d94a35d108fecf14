// Error lives in the bottom library (text/), so that every layer can throw it;
// this name stays for the code that includes it from here.
#pragma once

#include "text/error.h"
