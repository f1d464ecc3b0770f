"""PyOpenColorIO as the independent reader of the OpenColorIO tests.

    ocio_helper.py validate CONFIG
    ocio_helper.py looks CONFIG IN.f32 OUTDIR
        every look of CONFIG applied in its process space to the RGB floats of
        IN.f32; writes OUTDIR/N.f32 and prints "N<TAB>look<TAB>process space"
    ocio_helper.py apply CONFIG FROM (--to CS | --look L | --display D --view V) IN.f32 OUT.f32
    ocio_helper.py bake CONFIG FROM TO FORMAT SIZE OUT [SHAPER]
        OpenColorIO's Baker: the transform FROM -> TO as a LUT file of FORMAT

Processors run with lossless optimisation, as zelk-lut runs them: no fast
log/exp approximations on either side.
"""

import array
import sys

import PyOpenColorIO as OCIO


def read_floats(path):
    values = array.array("f")
    with open(path, "rb") as f:
        values.frombytes(f.read())
    return values


def write_floats(path, values):
    with open(path, "wb") as f:
        array.array("f", values).tofile(f)


def apply(config, transform, values):
    cpu = config.getProcessor(transform).getOptimizedCPUProcessor(
        OCIO.OPTIMIZATION_LOSSLESS)
    return cpu.applyRGB(list(values))


def transform_from(args):
    source = args[0]
    if args[1] == "--to":
        return OCIO.ColorSpaceTransform(src=source, dst=args[2]), args[3:]
    if args[1] == "--look":
        return OCIO.LookTransform(src=source, dst=source, looks=args[2]), args[3:]
    if args[1] == "--display" and args[3] == "--view":
        return OCIO.DisplayViewTransform(src=source, display=args[2], view=args[4]), args[5:]
    raise SystemExit("unknown transform: %s" % " ".join(args))


def main(argv):
    command, config_path = argv[1], argv[2]
    config = OCIO.Config.CreateFromFile(config_path)
    if command == "validate":
        config.validate()
    elif command == "looks":
        values = read_floats(argv[3])
        for index, look in enumerate(config.getLooks()):
            space = look.getProcessSpace()
            transform = OCIO.LookTransform(src=space, dst=space, looks=look.getName())
            write_floats("%s/%d.f32" % (argv[4], index), apply(config, transform, values))
            print("%d\t%s\t%s" % (index, look.getName(), space))
    elif command == "apply":
        transform, rest = transform_from(argv[3:])
        write_floats(rest[1], apply(config, transform, read_floats(rest[0])))
    elif command == "bake":
        baker = OCIO.Baker()
        baker.setConfig(config)
        baker.setInputSpace(argv[3])
        baker.setTargetSpace(argv[4])
        baker.setFormat(argv[5])
        baker.setCubeSize(int(argv[6]))
        if len(argv) > 8:
            baker.setShaperSpace(argv[8])
            baker.setShaperSize(4096)
        with open(argv[7], "w") as f:
            f.write(baker.bake())
    else:
        raise SystemExit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
