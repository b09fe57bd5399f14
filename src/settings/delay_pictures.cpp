#include "settings/delay_pictures.h"
