#pragma once
// The system parameters of the salary adjustment, read together, each with its type
// and default in one place. A stored value of another type is an error naming the key.

namespace humrs {

class TQVXComBase;

struct ChangeSalarySettings {
    // "HumPayNoLeave": 0 keeps the full-attendance bonus in the person's salary
    // settings; any other value pays it elsewhere, so a transferred adjustment writes
    // the bonus and its choice as 0. Default 0.
    int payNoLeave = 0;
    // "HumPayMess": the same for the meal allowance. Default 0.
    int payMess = 0;

    static ChangeSalarySettings Read(TQVXComBase& object);
};

}  // namespace humrs
