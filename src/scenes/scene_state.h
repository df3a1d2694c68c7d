// The state every card scene of this folder sets before its camera (not part
// of the folder's public header).
#pragma once

// Depth test off, blending on (factors left to the caller), lighting off,
// colour (1, 1, 1, 1), the slot's texture bound and texturing on.
void SetCardState(int slot);
