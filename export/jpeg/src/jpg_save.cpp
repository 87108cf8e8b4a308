#include "jpeg/jpg_save.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include <jpeglib.h>

#include "support/atomic_file.h"

void Jpg_CopyRGB32to24(unsigned char* dst, const unsigned char* src, int pixelCount) {
    for (int i = 0; i < pixelCount; ++i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * static_cast<std::size_t>(i), sizeof v);
        unsigned char* d = dst + 3 * static_cast<std::size_t>(i);
        d[0] = static_cast<unsigned char>(v >> 16);
        d[1] = static_cast<unsigned char>(v >> 8);
        d[2] = static_cast<unsigned char>(v);
    }
}

namespace {

// The library reports a fatal error by calling error_exit, which must not
// return: ours jumps back to the setjmp in Compress with the message kept.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings go nowhere: a picture that compresses is a picture written.
extern "C" void OnJpegMessage(j_common_ptr) {}

// Everything the compression changes lives here, outside the frame that
// calls setjmp, so its values are defined after a jump.
struct Job {
    const unsigned char* bits;
    int bytesPerRow, depth, width, height, quality;
    jpeg_compress_struct cinfo;
    ErrorManager err;
    std::FILE* out;
    char* buffer;
    std::size_t size;
    unsigned char* row;
};

// Plain C on purpose: a jump leaves this frame, so nothing in it may need a
// destructor. The caller closes job->out and frees job->buffer and job->row.
int Compress(Job* job) {
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = OnJpegError;
    job->err.pub.output_message = OnJpegMessage;
    if (setjmp(job->err.jump)) {
        jpeg_destroy_compress(&job->cinfo);
        return 1;
    }
    jpeg_create_compress(&job->cinfo);
    job->out = open_memstream(&job->buffer, &job->size);
    if (!job->out) {
        std::snprintf(job->err.message, sizeof job->err.message, "out of memory");
        jpeg_destroy_compress(&job->cinfo);
        return 1;
    }
    jpeg_stdio_dest(&job->cinfo, job->out);
    job->cinfo.image_width = static_cast<JDIMENSION>(job->width);
    job->cinfo.image_height = static_cast<JDIMENSION>(job->height);
    job->cinfo.input_components = job->depth == 8 ? 1 : 3;
    job->cinfo.in_color_space = job->depth == 8 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&job->cinfo);
    jpeg_set_quality(&job->cinfo, job->quality, TRUE);
    jpeg_start_compress(&job->cinfo, TRUE);
    while (job->cinfo.next_scanline < job->cinfo.image_height) {
        const unsigned char* src = job->bits + static_cast<std::size_t>(job->cinfo.next_scanline) *
                                                   static_cast<std::size_t>(job->bytesPerRow);
        JSAMPROW row = const_cast<JSAMPROW>(src); // the library only reads it
        if (job->depth == 32) {
            Jpg_CopyRGB32to24(job->row, src, job->width);
            row = job->row;
        }
        jpeg_write_scanlines(&job->cinfo, &row, 1);
    }
    jpeg_finish_compress(&job->cinfo);
    jpeg_destroy_compress(&job->cinfo);
    return 0;
}

int Fail(std::string* error, const std::string& message) {
    if (error)
        *error = message;
    return 1;
}

} // namespace

int Jpg_SaveBitmapToFile(const unsigned char* bits, int bytesPerRow, int depth, int width,
                         int height, const char* fileName, int quality, std::string* error) {
    const std::string name = fileName ? fileName : "";
    const std::string what = "Cannot write \"" + name + "\": ";
    if (name.empty())
        return Fail(error, what + "no file name");
    if (depth != 8 && depth != 24 && depth != 32)
        return Fail(error, what + "only 8, 24 and 32 bit pictures can be saved");
    if (!bits || width <= 0 || height <= 0 ||
        bytesPerRow < static_cast<long long>(width) * (depth / 8))
        return Fail(error, what + "the picture is empty or malformed");
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fail(error, what + "not a regular file");

    Job* job = static_cast<Job*>(std::calloc(1, sizeof(Job)));
    if (!job)
        return Fail(error, what + "out of memory");
    job->bits = bits;
    job->bytesPerRow = bytesPerRow;
    job->depth = depth;
    job->width = width;
    job->height = height;
    job->quality = quality;
    job->row =
        depth == 32 ? static_cast<unsigned char*>(std::malloc(3 * std::size_t(width))) : nullptr;
    int status = 1;
    std::string message = "out of memory";
    if (depth != 32 || job->row) {
        status = Compress(job);
        message = status ? job->err.message : "";
    }
    if (job->out && std::fclose(job->out) != 0 && status == 0) {
        status = 1;
        message = "out of memory";
    }
    if (status == 0 &&
        support::WriteFileAtomic(name, std::string_view(job->buffer, job->size), &message) != 0)
        status = 1;
    std::free(job->buffer);
    std::free(job->row);
    std::free(job);
    if (status == 0)
        return 0;
    // The atomic writer's messages name the file already.
    return Fail(error, message.rfind("Cannot", 0) == 0 ? message : what + message);
}
