#include "sim/card/i2c_line_decoder.h"

namespace chromaflow::sim {

void I2cLineDecoder::drive(bool sclHigh, bool masterSdaHigh) {
  // Both lines change in one register write: data moves while the clock is low, so a falling
  // clock is taken first and a rising clock last.
  if (sclHigh_ && !sclHigh) {
    sclHigh_ = false;
    onSclFall();
    setMasterSda(masterSdaHigh);
  } else if (!sclHigh_ && sclHigh) {
    setMasterSda(masterSdaHigh);
    sclHigh_ = true;
    onSclRise();
  } else {
    setMasterSda(masterSdaHigh);
  }
}

void I2cLineDecoder::setMasterSda(bool high) {
  const bool before = sdaHigh();
  masterSdaHigh_ = high;
  const bool after = sdaHigh();
  if (!sclHigh_ || before == after) return;
  if (before && !after) onStart();  // SDA falls while SCL is high
  else onStop();                    // SDA rises while SCL is high
}

void I2cLineDecoder::onStart() {
  if (current_) current_->stopped();
  current_ = nullptr;
  state_ = State::Address;
  bits_ = 0;
  shift_ = 0;
  slaveSdaLow_ = false;
}

void I2cLineDecoder::onStop() {
  if (current_) current_->stopped();
  current_ = nullptr;
  state_ = State::Idle;
  slaveSdaLow_ = false;
}

void I2cLineDecoder::onSclRise() {
  switch (state_) {
    case State::Address:
    case State::Receive:
      shift_ = static_cast<std::uint8_t>((shift_ << 1) | (sdaHigh() ? 1 : 0));
      ++bits_;
      break;
    case State::Transmit:
      ++bits_;
      break;
    case State::MasterAck:
      masterAcknowledged_ = !sdaHigh();
      break;
    default:
      break;
  }
}

void I2cLineDecoder::driveBit() {
  slaveSdaLow_ = ((shift_ >> (7 - bits_)) & 1) == 0;
}

void I2cLineDecoder::onSclFall() {
  switch (state_) {
    case State::Address:
      if (bits_ < 8) return;
      reading_ = (shift_ & 1) != 0;
      for (I2cSlave* slave : slaves_)
        if (slave->writeAddress() == (shift_ & 0xFE) && (!reading_ || slave->readable())) current_ = slave;
      if (!current_) {
        state_ = State::Ignore;
        return;
      }
      current_->addressed(reading_);
      slaveSdaLow_ = true;  // acknowledge
      state_ = State::AddressAck;
      return;
    case State::AddressAck:
    case State::ReceiveAck:
      slaveSdaLow_ = false;
      bits_ = 0;
      shift_ = 0;
      if (reading_) {
        shift_ = current_->transmit();
        state_ = State::Transmit;
        driveBit();
      } else {
        state_ = State::Receive;
      }
      return;
    case State::Receive:
      if (bits_ < 8) return;
      current_->receive(shift_);
      slaveSdaLow_ = true;  // acknowledge
      state_ = State::ReceiveAck;
      return;
    case State::Transmit:
      if (bits_ < 8) {
        driveBit();
        return;
      }
      slaveSdaLow_ = false;  // the master's acknowledge slot
      state_ = State::MasterAck;
      return;
    case State::MasterAck:
      if (!masterAcknowledged_) {
        state_ = State::Ignore;  // no-acknowledge: the master ends the read
        return;
      }
      bits_ = 0;
      shift_ = current_->transmit();
      state_ = State::Transmit;
      driveBit();
      return;
    case State::Idle:
    case State::Ignore:
      return;
  }
}

}  // namespace chromaflow::sim
