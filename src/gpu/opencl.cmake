# Placeholder until the OpenCL back-end lands.
