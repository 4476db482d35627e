#include "network_options.h"

#include "failure.h"
#include "texts.h"

namespace printune::cli {

std::vector<OptionSpec> NetworkAddressOptions() {
    return {
        {"dest", "ADDRESS[:PORT]", "send requests here instead of the broadcast address",
         "请求发往此地址，而不是广播地址"},
        {"bind", "ADDRESS[:PORT]", "local address for the replies", "接收应答的本地地址"},
    };
}

Ipv4Endpoint CheckEndpoint(const std::string& text, uint16_t defaultPort, const char* option) {
    const auto endpoint = ParseEndpoint(text, defaultPort);
    if (!endpoint)
        ThrowUsage(Format(L("invalid %s '%s' (ADDRESS[:PORT])", "%s 无效：'%s'（地址[:端口]）"),
                          option, text.c_str()));
    return *endpoint;
}

} // namespace printune::cli
