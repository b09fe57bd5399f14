#pragma once
// Windows metafiles (WMF, EMF) read into pictures.
