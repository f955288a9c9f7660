#pragma once

#include <optional>

// Tells a rotctld client's set that only repeats the door's last one while the rotor is on its
// way: gpredict sends its target again every 0.8 s until it reads it, and a new drive of a
// Prosistel D starts with a stop, so each repeat made the rotor stutter. The rotor's own reports
// decide, never the commanded azimuth, so a family that never reports is never driven again by a
// repeat.
class RepeatedTarget
{
public:
    // The door set this azimuth, and the program took it.
    void setSent(int azimuth);
    // A stop went to the rotor: the next set drives, whatever it is.
    void stopped() { m_target.reset(); }
    // The controller reported this azimuth (-1: none).
    void observe(int reported);

    // Whether a set of this azimuth may be a repeat: then the position decides (isRepeat).
    bool mayRepeat(int azimuth) const { return m_target == azimuth; }
    // Whether the set changes nothing: the door's last target, still the rotor's command, not
    // yet reported; or reported and the rotor still there. A rotor that arrived and was moved
    // away since (its own knob) is driven again.
    bool isRepeat(int azimuth, int reported, int commanded);

private:
    std::optional<int> m_target;
    bool m_reached = false;
};
