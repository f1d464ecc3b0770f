# Placeholder until the CUDA back-end lands.
