// Route table of the network module, in its registration order.
#include "modules/network/network_module.h"
#include "proto/cert_proto.h"
#include "proto/device_proto.h"
#include "proto/network_proto.h"
#include "proto/oplog.h"
#include "proto/p2p_proto.h"

namespace {
constexpr RouteDef kNetworkRoutes[] = {
    ROUTE("/7000", on_get_time_info, Form::kNone, Form::kJson),
    ROUTE("/7001", on_set_time_info, Form::kJson, Form::kText, net::kReqSetTime, kReqOpLog),
    ROUTE("/7010", on_get_pppoe_info, Form::kNone, Form::kJson),
    ROUTE("/7011", on_set_pppoe_info, Form::kJson, Form::kText, kReqSettingsChanged, kReqOpLog),
    ROUTE("/7020", on_get_ddns_info, Form::kNone, Form::kJson),
    ROUTE("/7021", on_set_ddns_info, Form::kJson, Form::kText, kReqSettingsChanged, kReqOpLog),
    ROUTE("/7030", on_get_email_info, Form::kNone, Form::kJson),
    ROUTE("/7031", on_set_email_info, Form::kJson, Form::kText, kReqSettingsChanged, kReqOpLog),
    ROUTE("/7032", on_test_email, Form::kNone, Form::kText, net::kReqTestMail),
    ROUTE("/7033", on_cgi_get_multicast, Form::kNone, Form::kJson),
    ROUTE("/7034", on_cgi_set_multicast, Form::kJson, Form::kJson, net::kReqMulticast),
    ROUTE("/7040", on_get_network_info, Form::kText, Form::kJson),
    ROUTE("/7041", on_set_network_info, Form::kJson, Form::kText, net::kReqSlaveClear, kReqSettingsChanged, kReqOpLog),
    ROUTE("/7042", on_get_network_mode, Form::kNone, Form::kText),
    ROUTE("/7043", on_restart_network, Form::kNone, Form::kText, net::kReqRestartNetwork),
    ROUTE("/7044", on_get_mac0, Form::kNone, Form::kJson),
    ROUTE("/7050", on_get_port_info, Form::kNone, Form::kJson),
    ROUTE("/7051", on_set_port_info, Form::kJson, Form::kText, net::kReqChannelAccess, net::kReqPushMsg, kReqSettingsChanged, kReqReboot, kReqOpLog),
    ROUTE("/7060", on_get_p2p_info, Form::kNone, Form::kJson, p2p::kReqStatus),
    ROUTE("/7061", on_set_p2p_info, Form::kJson, Form::kText, p2p::kReqEnable, p2p::kReqDisable),
    ROUTE("/7062", on_test_p2p, Form::kJson, Form::kText, p2p::kReqEnable),
    ROUTE("/7070", on_ip_conflict, Form::kJson, Form::kText, net::kReqIpConflict),
    ROUTE("/7071", on_ip_conflict_by_dev, Form::kJson, Form::kText, net::kReqIpConflictDev),
    ROUTE("/7080", on_create_https_cert, Form::kJson, Form::kText, cert::kReqCreate),
    ROUTE("/7081", on_get_cert_info, Form::kNone, Form::kJson),
    ROUTE("/7082", on_download_cert_req, Form::kNone, Form::kDownload),
    ROUTE("/7083", on_delete_cert_req, Form::kNone, Form::kText, cert::kReqDropRequest),
    ROUTE("/7084", on_install_cert, Form::kUpload, Form::kText, cert::kReqInstall),
    ROUTE("/7085", on_delete_cert, Form::kNone, Form::kText, cert::kReqRemove, cert::kReqHttps),
    ROUTE("/7086", on_set_https_enable, Form::kJson, Form::kText, cert::kReqHttps),
    ROUTE("/7087", on_get_https_enable, Form::kNone, Form::kJson),
    ROUTE("/7089", on_get_cert_req_info, Form::kNone, Form::kJson),
    ROUTE("/7090", on_get_snmp_info, Form::kNone, Form::kJson),
    ROUTE("/7091", on_set_snmp_info, Form::kJson, Form::kText, kReqSettingsChanged),
    ROUTE("/7092", on_get_access_info, Form::kNone, Form::kJson),
    ROUTE("/7093", on_get_poe_max, Form::kNone, Form::kJson),
    ROUTE("/7094", on_get_ddns_status, Form::kNone, Form::kJson, net::kReqDdnsStatus),
    ROUTE("/7095", on_cgi_p2p_unbind_device, Form::kNone, Form::kJson, p2p::kReqUnbind),
    ROUTE("/7096", on_cgi_set_default_route, Form::kJson, Form::kJson, net::kReqDefaultRoute),
};
}  // namespace

WEB_MODULE(network_module, "network", kNetworkRoutes);
