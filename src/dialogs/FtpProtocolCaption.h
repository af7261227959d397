#pragma once

#include "upload/UploadStore.h"

#include <QString>
#include <array>

// The protocols in the order the dialogs offer them, and how they name
// them: the preferences' choice, its question and the page properties.
const std::array<FtpProtocol, 3>& FtpProtocolChoices();
QString FtpProtocolCaption(FtpProtocol protocol);
