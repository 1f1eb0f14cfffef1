// One HTTP transfer of the receiver client (libcurl); used by ReceiverClient only.
#pragma once

#include <atomic>
#include <string>

#include "webif/receiver_client.h"

// GETs wire.addressPrefix + command. `cancel` is polled while the transfer runs and
// aborts it when set. Transport errors other than cancellation are logged as
// "NET ERR #nn (...)"; the verbose lines go through wxLogVerbose.
WebReply PerformTransfer(const ReceiverClient::Wire& wire, const std::string& command,
                         const std::atomic<bool>& cancel);

// The error text of a reply whose body outgrew the limit.
wxString BodyTooLargeText(std::size_t maxBodyBytes);
