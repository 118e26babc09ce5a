// Faults a simulated device can be told to produce, each at a chosen handshake
// attempt or block.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zentho::sim {

// Where a fault strikes. Attempt k is the k-th SETIMGTYPE the device receives
// (counting from 1); block b is the DNLOAD carrying data with blockNumber b.
enum class Phase : std::uint8_t { Handshake, Transfer };

enum class FaultKind : std::uint8_t {
  // Handshake: the `command` report of attempt `at` (SETIMGTYPE, or the CLRSTATUS /
  // ABORT after its status read) fails `count` times in a row.
  // Transfer: the DNLOAD of block `at` fails `count` times in a row.
  FailDelivery,
  // The first `count` status reads of attempt / block `at` fail.
  FailRead,
  // Handshake: the status read of attempt `at` reports chip revision byte `value`.
  ChipRevisionByte,
  // Handshake: the status read of attempt `at` reports state `value`.
  // Transfer: the acknowledgement of block `at` reports state `value` (8 refuses it).
  ReportState,
  // Transfer: `count` reads answer state 4 with nextBlock `value` before the real
  // acknowledgement of block `at`.
  WrongNextBlock,
  // Transfer: `count` reads answer busy (state `value`, default 2) before the
  // acknowledgement of block `at`.
  PendingReads,
  // Transfer: block `at` and every later one are never acknowledged (busy forever).
  NeverAcknowledge,
  // The device is unplugged when the first report of attempt / block `at` arrives:
  // that call and every later one fail.
  Remove,
};

struct Fault {
  Phase phase = Phase::Transfer;
  unsigned at = 0;
  FaultKind kind = FaultKind::FailDelivery;
  unsigned count = 1;
  std::uint16_t value = 0;
  std::uint8_t command = 0;  // FailDelivery in the handshake: 5, 3 or 4; 0 means SETIMGTYPE
};

struct FaultPlan {
  // A handshake whose status reads report `states` at attempts 1, 2, ... in turn.
  static FaultPlan HandshakeStates(const std::vector<std::uint8_t>& states);

  std::vector<Fault> faults;
  // Default answers of a healthy device.
  std::uint8_t chipRevisionByte = 0x10;
  std::optional<std::size_t> declaredInputLength = 8;  // nullopt: the query fails
};

}  // namespace zentho::sim
