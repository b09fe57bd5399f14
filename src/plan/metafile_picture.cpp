#include "plan/metafile_picture.h"
