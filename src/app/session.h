#pragma once
// One run of the program without its windows: the card behind its port, the four documents and
// the painting control, tied together so that every change of plan, colours or settings ends in
// the main window's redraw chain (totals, dosing, correction reset).

#include "app/documents.h"
#include "card/i2c_bus.h"
#include "card/k8000_card.h"
#include "card/port_access.h"
#include "control/painting_control.h"

namespace chromaflow {

struct Session {
  Session(PortAccess& port, ControlTimers timers)
      : bus(port), card(bus), control(card, documents.settings, documents.plan, documents.colours, timers) {
    documents.viewsChanged = [this] {
      control.RedrawSurfaceView();
      control.RedrawProportionViews();
    };
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Documents documents;
  I2cBus bus;
  K8000Card card;
  PaintingControl control;
};

}  // namespace chromaflow
