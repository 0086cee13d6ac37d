#pragma once
// Same as e2e_fixture.h (the fixture's first name, kept for the tests that include it).
#include "tests/e2e/driver/e2e_fixture.h"
