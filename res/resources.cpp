// Anchor for the embedded resources.
