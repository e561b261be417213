// Replaced as the module's sources arrive.
