#include "settings/settings_charts.h"
