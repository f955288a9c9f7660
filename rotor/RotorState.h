#pragma once

#include <QObject>

// Where the rotor points and where it was sent, as one value with one owner. The families keep
// it current (the design's from their replies, HAMLIB from its reads); the window, the link, the
// map and the front doors read it.
class RotorState : public QObject
{
    Q_OBJECT
public:
    struct Value
    {
        int commanded = -1;  // azimuth of the last drive started, 0 to 359; -1 before any
        int reported = -1;   // azimuth the controller last reported, 0 to 359; -1 when none
        bool moving = false; // the controller last said it is turning
        bool operator==(const Value &) const = default;
    };

    using QObject::QObject;

    const Value &value() const { return m_value; }
    int commanded() const { return m_value.commanded; }
    int reported() const { return m_value.reported; }
    bool moving() const { return m_value.moving; }

    // Out of 0 to 359: -1. Each emits changed() only when the value changes.
    void setCommanded(int azimuth);
    void setReported(int azimuth);
    void setMoving(bool moving);

signals:
    void changed(const RotorState::Value &value);

private:
    void set(Value value);

    Value m_value;
};
