// Route table of the network module, in its registration order.
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
    ROUTE("/7060", on_get_p2p_info),
    ROUTE("/7061", on_set_p2p_info),
    ROUTE("/7062", on_test_p2p),
    ROUTE("/7070", on_ip_conflict),
    ROUTE("/7071", on_ip_conflict_by_dev),
    ROUTE("/7080", on_create_https_cert),
    ROUTE("/7081", on_get_cert_info),
    ROUTE("/7082", on_download_cert_req),
    ROUTE("/7083", on_delete_cert_req),
    ROUTE("/7084", on_install_cert),
    ROUTE("/7085", on_delete_cert),
    ROUTE("/7086", on_set_https_enable),
    ROUTE("/7087", on_get_https_enable),
    ROUTE("/7089", on_get_cert_req_info),
    ROUTE("/7090", on_get_snmp_info),
    ROUTE("/7091", on_set_snmp_info),
    ROUTE("/7092", on_get_access_info),
    ROUTE("/7093", on_get_poe_max),
    ROUTE("/7094", on_get_ddns_status),
    ROUTE("/7095", on_cgi_p2p_unbind_device),
    ROUTE("/7096", on_cgi_set_default_route),
};
}  // namespace

WEB_MODULE(network_module, "network", kNetworkRoutes);
