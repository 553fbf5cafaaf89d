#pragma once

#include "Views/StandInGridPage.h"

namespace corvanta {

// The page view and the single-application cell the paged grid and the search results place.
using HostedPageView = StandInGridPage;
using HostedPageServices = StandInServices;
using HostedResultCell = StandInCell;

} // namespace corvanta
