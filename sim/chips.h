// The two chips on the card's bus, as receivers that read the lines on their
// own: the transmitter chip and the RDS encoder. Both only receive; neither
// can be read.
#ifndef TORVEL_SIM_CHIPS_H
#define TORVEL_SIM_CHIPS_H

#include "bus_decoder.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// What every chip does on the bus: on a START it reads the address byte, and
// it reads every byte of a message that it answered. It acknowledges a byte by
// holding the data line low from the clock's fall after the byte's eighth bit
// to the fall after the ninth (the line is open-drain: the driver's raised
// level does not lift it). It acts on a message only at its STOP.
class Chip {
  public:
    virtual ~Chip() = default;

    // One line of the bus changed from `before` to `after` at `timeNs`.
    void Watch(uint8_t before, uint8_t after, int64_t timeNs);
    bool PullsData() const { return pulling; }

    // Messages, or parts of them, that the chip did not take, and why.
    const std::vector<Fault> &Refusals() const { return refusals; }
    void ClearRefusals() { refusals.clear(); }

  protected:
    // The address byte (address and read bit) of a message: true to answer.
    virtual bool TakeAddress(int64_t t, uint8_t addressByte) = 0;
    // A data byte of a message the chip answered: true to acknowledge it.
    virtual bool TakeByte(int64_t t, uint8_t value) = 0;
    // The STOP of a message the chip answered.
    virtual void Stop(int64_t t) = 0;
    // A START before the STOP of a message the chip answered.
    virtual void Abandon(int64_t t) = 0;

    void Refuse(int64_t t, const std::string &detail);

  private:
    enum class Phase { Idle, Address, Answered, Ignoring };
    Phase phase = Phase::Idle;
    int clocks = 0;
    unsigned bits = 0;
    bool pulling = false;
    std::vector<Fault> refusals;
};

// The transmitter chip, 7-bit address 0x60 (address byte 0xC0). A tuning
// message is four bytes: the channel in 50 kHz steps, high byte then low
// byte, a byte that is read and not used (0xC0 from the library), and the
// control value. The chip tunes on the STOP of a whole message; a message of
// any other length is not taken, and bytes after the fourth are not
// acknowledged.
class Transmitter : public Chip {
  public:
    static const uint8_t ADDRESS = 0x60;

    bool tuned = false;
    unsigned channel = 0; // 50 kHz steps
    uint8_t control = 0;  // the control byte as the chip received it

  protected:
    bool TakeAddress(int64_t t, uint8_t addressByte) override;
    bool TakeByte(int64_t t, uint8_t value) override;
    void Stop(int64_t t) override;
    void Abandon(int64_t t) override;

  private:
    std::vector<uint8_t> message;
};

// The RDS encoder, 7-bit address 0x56 (address byte 0xAC), which also answers
// the general call address 0x00.
//
// To its own address it takes settings: 0x00 opens a key, 0x01 ends the key
// and opens its value, 0x02 ends the value; a message may carry several
// settings, each going into the encoder's table (a later value replaces an
// earlier one). The key is at least one byte and holds no 0x00, 0x01 or 0x02;
// the value is any bytes but 0x02, none at all included.
//
// On the general call the address byte 0x00 itself opens the key, and the one
// setting the encoder knows there is its power: key "PWR", value one byte,
// 0x01 on, 0x00 off. Other general-call settings are not taken.
//
// A byte that breaks the framing is not acknowledged, and neither is anything
// after it: the whole message is dropped. So is a message that ends inside a
// setting. The settings of a message go into effect together, at its STOP.
// A fresh encoder is powered off with an empty table.
class RdsEncoder : public Chip {
  public:
    static const uint8_t ADDRESS = 0x56;
    static const uint8_t GENERAL_CALL = 0x00;

    bool power = false;
    std::map<std::string, std::string> settings;

  protected:
    bool TakeAddress(int64_t t, uint8_t addressByte) override;
    bool TakeByte(int64_t t, uint8_t value) override;
    void Stop(int64_t t) override;
    void Abandon(int64_t t) override;

  private:
    enum class Phase { KeyOpen, Key, Value, Broken };
    bool Break(int64_t t, const std::string &why);

    Phase phase = Phase::KeyOpen;
    bool generalCall = false;
    std::string key, value;
    std::vector<std::pair<std::string, std::string>> received;
};

} // namespace sim

#endif
