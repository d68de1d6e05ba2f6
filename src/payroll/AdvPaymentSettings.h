#pragma once
// The system parameters of the advance payment bill, read together, each with its
// type and default in one place.
namespace humrs {

class TQVXComBase;

struct AdvPaymentSettings {
    // "HumAdvCaclWithRate": a new bill is computed as a percentage of salary. Default off.
    bool byPercent = false;
    // "HumAdvCWithRPercent": the percentage a new percentage bill starts with. Default 0.
    double payRate = 0;

    static AdvPaymentSettings Read(TQVXComBase& object);
};

}  // namespace humrs
