#pragma once
// A port access that passes every access on to another one and counts it, optionally keeping
// the whole traffic: used to show the exact register sequence of a card operation and to
// measure how many accesses an operation costs.

#include <cstdint>
#include <vector>

#include "core/card/port_access.h"

namespace chromaflow {

struct PortAccessRecord {
  bool write;
  std::uint16_t address;
  std::uint8_t value;  // the value written, or the value the read returned
  bool operator==(const PortAccessRecord&) const = default;
};

class RecordingPort : public PortAccess {
 public:
  explicit RecordingPort(PortAccess& inner, bool keepTraffic = true)
      : inner_(inner), keepTraffic_(keepTraffic) {}

  std::uint8_t readByte(std::uint16_t address) override {
    std::uint8_t value = inner_.readByte(address);
    ++reads_;
    if (keepTraffic_) traffic_.push_back({false, address, value});
    return value;
  }

  void writeByte(std::uint16_t address, std::uint8_t value) override {
    inner_.writeByte(address, value);
    ++writes_;
    if (keepTraffic_) traffic_.push_back({true, address, value});
  }

  std::uint64_t reads() const { return reads_; }
  std::uint64_t writes() const { return writes_; }
  std::uint64_t accesses() const { return reads_ + writes_; }
  const std::vector<PortAccessRecord>& traffic() const { return traffic_; }

  void clear() {
    reads_ = writes_ = 0;
    traffic_.clear();
  }

 private:
  PortAccess& inner_;
  bool keepTraffic_;
  std::uint64_t reads_ = 0;
  std::uint64_t writes_ = 0;
  std::vector<PortAccessRecord> traffic_;
};

}  // namespace chromaflow
