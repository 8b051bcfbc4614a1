#pragma once

namespace pontavi {

// The rule that only one copy of the program runs per user.
class SingleInstance {
  public:
    virtual ~SingleInstance() = default;

    // False when another running copy holds the claim; a second start then
    // ends silently. Once true, the claim is held for the object's life.
    virtual bool acquire() = 0;
};

}  // namespace pontavi
