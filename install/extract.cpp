#include "install.h"

// Placeholder until the extraction engine lands.
void ExpandNextPayload()
{
}
