#include "services/link_state.h"

namespace vt {

bool CarriesLine(const AdapterRow& row) {
    // Loopback, tunnels, PPP (the broadband connection itself), VPN and virtual switch adapters have no
    // port of their own: their state says nothing of the cable, and some virtual ones call themselves
    // hardware all the same. An adapter that is away or disabled cannot carry the line now, and its
    // missing link is no cable out. A filter driver's row repeats its adapter's.
    return row.connector && row.present && row.enabled && !row.filter &&
           (row.type == kIfTypeEthernet || row.type == kIfTypeWifi);
}

Link ReduceLink(std::span<const AdapterRow> rows) {
    bool any = false, unknown = false;
    for (const AdapterRow& row : rows) {
        if (!CarriesLine(row)) continue;
        if (row.media == MediaState::Connected) return Link::Up;
        any = true;
        // An adapter that does not know may be the one with the cable: never hold a dial on it.
        unknown = unknown || row.media != MediaState::Disconnected;
    }
    return any && !unknown ? Link::Down : Link::Unknown;
}

std::string LinkAdapterNames(std::span<const AdapterRow> rows) {
    std::string names;
    for (const AdapterRow& row : rows) {
        if (!CarriesLine(row)) continue;
        if (row.media == MediaState::Connected) return row.name;
        if (!names.empty()) names += "、";
        names += row.name;
    }
    return names;
}

}  // namespace vt
