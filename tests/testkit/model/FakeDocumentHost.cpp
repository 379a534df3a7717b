#include "model/FakeDocumentHost.h"
