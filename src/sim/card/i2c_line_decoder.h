#pragma once
// The bit-level I2C slave side: follows the SCL and SDA lines, decodes start and stop
// conditions, address and data bytes and acknowledge slots exactly as the chips do, and pulls
// SDA low when a chip acknowledges or sends a 0 bit.

#include <cstdint>
#include <vector>

#include "sim/card/i2c_slave.h"

namespace chromaflow::sim {

class I2cLineDecoder {
 public:
  void attach(I2cSlave& slave) { slaves_.push_back(&slave); }

  // The levels the master drives (true = released, high). SDA on the wire is the wired AND of
  // the master and the addressed chip.
  void drive(bool sclHigh, bool masterSdaHigh);
  bool sdaHigh() const { return masterSdaHigh_ && !slaveSdaLow_; }
  bool sclHigh() const { return sclHigh_; }

 private:
  enum class State { Idle, Address, AddressAck, Receive, ReceiveAck, Transmit, MasterAck, Ignore };

  void setMasterSda(bool high);
  void onStart();
  void onStop();
  void onSclRise();
  void onSclFall();
  void driveBit();

  std::vector<I2cSlave*> slaves_;
  I2cSlave* current_ = nullptr;
  State state_ = State::Idle;
  bool sclHigh_ = true;
  bool masterSdaHigh_ = true;
  bool slaveSdaLow_ = false;
  bool reading_ = false;
  bool masterAcknowledged_ = false;
  int bits_ = 0;
  std::uint8_t shift_ = 0;
};

}  // namespace chromaflow::sim
