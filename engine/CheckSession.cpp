#include "engine/CheckSession.h"

#include "engine/ClsPing.h"
#include "model/Globals.h"

#include <algorithm>

CheckSession::Check::Check(CheckSession& session, ClsPing& windowProbe)
    : session_(session), probe_(&windowProbe), generation_(gPingDatas.Generation()) {
    // A check further out may be anywhere in its computer's turn, with the prober's
    // time-out set for that computer: never share it.
    if (session_.Running()) {
        own_ = std::make_unique<ClsPing>();
        probe_ = own_.get();
    }
    probe_->SetStopCondition(StopCondition());
    ++session_.depth_;
}

CheckSession::Check::~Check() {
    probe_->SetStopCondition({});
    if (--session_.depth_ == 0) {
        session_.ending_ = false;
        session_.probes_.clear();
    }
}

bool CheckSession::Check::ListUnchanged() const { return gPingDatas.Generation() == generation_; }

void CheckSession::Check::TakeList() { generation_ = gPingDatas.Generation(); }

CheckSession::PluginUse::PluginUse(CheckSession& session, const QObject* object)
    : session_(session), object_(object) {
    auto& inUse = session_.pluginsInUse_;
    if (std::find(inUse.begin(), inUse.end(), object) != inUse.end()) return;
    inUse.push_back(object);
    acquired_ = true;
}

CheckSession::PluginUse::~PluginUse() {
    if (!acquired_) return;
    auto& inUse = session_.pluginsInUse_;
    inUse.erase(std::find(inUse.begin(), inUse.end(), object_));
}
