#include "Player.h"

PlayerGlobals player_globals;
