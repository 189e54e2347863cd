#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The top-level values of an OpenCV FileStorage file, YAML (after its
// "%YAML:1.0" line) or XML (<opencv_storage>), in the few shapes a
// calibration pair uses. Each look-up reads one value and is bounded by its
// caller, so that a hostile file (aliases repeating a list, a list of a
// million items) costs no more than its own size.

// A number, or a text when written in quotes or not a number. A number is
// kept as written too: a name may be one.
struct OpenCvScalar {
    std::string text;
    std::optional<double> number; // finite or not, as the text reads
};

struct OpenCvMatrix {
    int rows = 0;
    int cols = 0;
    std::vector<double> data; // row by row, each finite
};

class COpenCvStorage
{
  public:
    virtual ~COpenCvStorage() = default;
    // Whether the key is there with a value.
    virtual bool Has(const std::string& key) const = 0;
    // The value when it is one scalar.
    virtual std::optional<OpenCvScalar> Scalar(const std::string& key) const = 0;
    // The items when the value is a list of at most `most` scalars.
    virtual std::optional<std::vector<OpenCvScalar>> ScalarList(const std::string& key, size_t most) const = 0;
    // A matrix (a map of whole rows and cols below `most`, and data of
    // rows * cols finite numbers), or a plain list of at most `most` finite
    // numbers as a column; nullopt for anything else.
    std::optional<OpenCvMatrix> Matrix(const std::string& key, size_t most) const;

  protected:
    struct MatrixParts {
        std::optional<OpenCvScalar> rows, cols;
        std::optional<std::vector<OpenCvScalar>> data;
    };
    // The rows, cols and data of a map, data of at most `most` scalars;
    // nullopt when the value is no map.
    virtual std::optional<MatrixParts> MatrixMap(const std::string& key, size_t most) const = 0;
};

struct OpenCvStorageResult {
    std::unique_ptr<COpenCvStorage> storage;
    std::string error; // without the file's name: "not an OpenCV YAML file: line 3: ..."
};
// XML when the text's first character past white space is '<', else YAML.
// The caller has bounded the text's size and nesting.
OpenCvStorageResult ParseOpenCvStorage(const std::string& text);
// Whether the text would be read as XML.
bool IsOpenCvXml(const std::string& text);
