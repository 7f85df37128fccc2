// What a host app includes to use the SDK: the facade QORModule with the values it hands out and
// takes (status codes and their names, the transaction summary, tenants, themes, texts of the native
// screens, the cross-platform UI module's contract), the exported constants and the version, and the
// platform's main queue, which the host app runs and on which every completion arrives.
#pragma once

#include "KivAbstractCore/CustomFontConfig.h"
#include "KivAbstractCore/KivApi.h"
#include "KivAbstractCore/LocalFontConfig.h"
#include "KivAbstractCore/LocalStorageCustomFontConfig.h"
#include "common/actions/QORStatus.h"
#include "common/log/QORLog.h"
#include "common/theme/QORTheme.h"
#include "common/theme/QORThemeKeys.h"
#include "platform/Queue.h"
#include "platform/ui/Application.h"
#include "sdk/QORConstants.h"
#include "sdk/QORModule.h"
#include "sdk/QORVersion.h"
#include "sdk/TransactionInfo.h"
#include "sdk/resources/DefaultResourceProvider.h"
#include "sdk/resources/ResourceProvider.h"
#include "sdk/tenants/QORTenant.h"
