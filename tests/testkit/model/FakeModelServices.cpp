#include "model/FakeModelServices.h"
