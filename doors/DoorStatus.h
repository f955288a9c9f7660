#pragma once

// Hamlib's status codes, as rotctld prints them after "RPRT": what every door's rotator answers.
namespace DoorStatus {
constexpr int kOk = 0;
constexpr int kInvalidValue = -1;
constexpr int kIoError = -6;
constexpr int kProtocolError = -8;
constexpr int kRejected = -9;
constexpr int kNotAvailable = -11;
} // namespace DoorStatus
