// Route table of the network module, in its registration order. The
// certificate and P2P routes (/7060-/7062, /7080-/7089, /7095) take their
// places in this order when they arrive.
#include "modules/network/network_module.h"

namespace {
constexpr RouteDef kNetworkRoutes[] = {
    ROUTE("/7000", on_get_time_info),
    ROUTE("/7001", on_set_time_info),
    ROUTE("/7010", on_get_pppoe_info),
    ROUTE("/7011", on_set_pppoe_info),
    ROUTE("/7020", on_get_ddns_info),
    ROUTE("/7021", on_set_ddns_info),
    ROUTE("/7030", on_get_email_info),
    ROUTE("/7031", on_set_email_info),
    ROUTE("/7032", on_test_email),
    ROUTE("/7033", on_cgi_get_multicast),
    ROUTE("/7034", on_cgi_set_multicast),
    ROUTE("/7040", on_get_network_info),
    ROUTE("/7041", on_set_network_info),
    ROUTE("/7042", on_get_network_mode),
    ROUTE("/7043", on_restart_network),
    ROUTE("/7044", on_get_mac0),
    ROUTE("/7050", on_get_port_info),
    ROUTE("/7051", on_set_port_info),
    ROUTE("/7070", on_ip_conflict),
    ROUTE("/7071", on_ip_conflict_by_dev),
    ROUTE("/7090", on_get_snmp_info),
    ROUTE("/7091", on_set_snmp_info),
    ROUTE("/7092", on_get_access_info),
    ROUTE("/7093", on_get_poe_max),
    ROUTE("/7094", on_get_ddns_status),
    ROUTE("/7096", on_cgi_set_default_route),
};
}  // namespace

WEB_MODULE(network_module, "network", kNetworkRoutes);
