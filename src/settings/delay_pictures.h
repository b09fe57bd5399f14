#pragma once
// The pictures that explain the hose delay and the mixing filter.
