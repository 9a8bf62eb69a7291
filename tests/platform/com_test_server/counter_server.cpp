#include "counter.h"
#include "platform/error_rules.h"
#include "platform/vbtypes.h"

namespace {

vr::com::ServerCounts g_counts;

class Counter final : public vr::com::DispatchObject<_Counter> {
public:
    Counter() : DispatchObject(g_counts, IID__Counter) {}
    vr::com::HRESULT Add(int32_t& amount, int32_t* total) override {
        return vr::ReturnErrorToCaller([&] {
            total_ = vr::Add32(total_, amount);
            if (total) *total = total_;
        });
    }
    vr::com::HRESULT Fail(int32_t& number) override {
        return vr::ReturnErrorToCaller([&] { vr::Raise(number); });
    }

private:
    int32_t total_ = 0;
};

const vr::com::ClassEntry kClasses[] = {{CLSID_Counter, "Counter", &vr::com::DispatchObject<_Counter>::CreateAs<Counter>}};
const vr::com::ServerDescription kServer = {"CounterLib", LIBID_CounterLib, kClasses, 1, &g_counts};

}  // namespace

VR_COM_SERVER_ENTRY_POINTS(kServer)
