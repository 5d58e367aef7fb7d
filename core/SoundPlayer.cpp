#include "core/SoundPlayer.h"
