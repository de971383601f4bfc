// Replaced as the exchange subsystem lands.
