/* The least a program can do for the guest's timed commands, to read their times against:
 *   vivid_floor                   starts and writes one line (a C program's start-up);
 *   vivid_floor formats DEVICE    only the ioctls that list every format, size and frame
 *                                 interval (what --list-formats-ext asks), writing nothing;
 *   vivid_floor text DEVICE       the same ioctls and one printf line per answer.
 * Built by bench/vivid_report_bench.sh with the host's C compiler. */
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int Ask(int fd, unsigned long request, void* arg) {
    int result;
    do {
        result = ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

static void ListIntervals(int fd, unsigned pixelformat, unsigned width, unsigned height, int text) {
    struct v4l2_frmivalenum interval;
    memset(&interval, 0, sizeof interval);
    interval.pixel_format = pixelformat;
    interval.width = width;
    interval.height = height;
    for (; Ask(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) == 0; interval.index++) {
        if (text && interval.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            const double seconds =
                (double)interval.discrete.numerator / interval.discrete.denominator;
            printf("\t\t\tInterval: Discrete %.3fs (%.3f fps)\n", seconds, 1.0 / seconds);
        }
    }
}

static void ListSizes(int fd, unsigned pixelformat, int text) {
    struct v4l2_frmsizeenum size;
    memset(&size, 0, sizeof size);
    size.pixel_format = pixelformat;
    for (; Ask(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; size.index++) {
        if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
            return; /* a range: the ioctl lists no single sizes */
        }
        if (text) {
            printf("\t\tSize: Discrete %ux%u\n", size.discrete.width, size.discrete.height);
        }
        ListIntervals(fd, pixelformat, size.discrete.width, size.discrete.height, text);
    }
}

static int ListFormats(const char* device, int text) {
    const int fd = open(device, O_RDWR);
    if (fd < 0) {
        perror(device);
        return 1;
    }
    struct v4l2_fmtdesc format;
    memset(&format, 0, sizeof format);
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (; Ask(fd, VIDIOC_ENUM_FMT, &format) == 0; format.index++) {
        if (text) {
            printf("\t[%u]: '%.4s' (%s)\n", format.index, (const char*)&format.pixelformat,
                   (const char*)format.description);
        }
        ListSizes(fd, format.pixelformat, text);
    }
    close(fd);
    return format.index == 0; /* a capture device has at least one format */
}

int main(int argc, char** argv) {
    if (argc == 1) {
        fputs("The operation completed successfully.\n", stdout);
        return 0;
    }
    if (argc == 3 && (strcmp(argv[1], "formats") == 0 || strcmp(argv[1], "text") == 0)) {
        return ListFormats(argv[2], strcmp(argv[1], "text") == 0);
    }
    fputs("usage: vivid_floor [formats|text DEVICE]\n", stderr);
    return 2;
}
