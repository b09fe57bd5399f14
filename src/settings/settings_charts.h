#pragma once
// The two charts of the settings window.
