#pragma once

#include "platform/UserAccount.h"

// The current user's account from the password database: the full name is the first
// comma-separated field of the GECOS entry. Fields that cannot be read stay empty.
UserAccount currentUserAccount();
